#include "session/LaunchOptions.h"

LaunchOptions& LaunchOptions::Current() {
  static LaunchOptions options;
  return options;
}
