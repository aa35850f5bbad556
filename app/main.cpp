// Process entry. The frame lives in the core library so that tests can run it.
int main() {
  return 0;
}
