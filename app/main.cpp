// Process entry. The frame lives in the core library so that tests can run it.
#include <sys/stat.h>

#include "app/KvupApp.h"

int main(int argc, char** argv) {
  // The databases hold the account's upload history and the logs its paths:
  // nothing kvup creates is for other users' eyes.
  umask(077);
  return KvupApp::Run(argc, argv);
}
