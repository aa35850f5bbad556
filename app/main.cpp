// Process entry. The frame lives in the core library so that tests can run it.
#include "app/KvupApp.h"

int main(int argc, char** argv) {
  return KvupApp::Run(argc, argv);
}
