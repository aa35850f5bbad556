// Process entry. The frame lives in the core library so that tests can run it.
#include "app/KvupApp.h"
#include "platform/PrivateProcess.h"

int main(int argc, char** argv) {
  // The databases hold the account's upload history and the logs its paths,
  // its memory the account's cookies: none of it is for other users' eyes.
  platform::MakeProcessPrivate();
  return KvupApp::Run(argc, argv);
}
