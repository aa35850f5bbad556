// Logging set-up: log4cplus reads its properties file while the environment
// variable LOG_FILE_SUFFIX holds the start time, so that the file can name
// one log file per run.
#pragma once

#include <ctime>
#include <string>

namespace logsetup {

constexpr const char* kPropertiesFile = "./log4cplus.properties";
constexpr const char* kSuffixVariable = "LOG_FILE_SUFFIX";

// The properties file of this run: "./log4cplus.properties" in the working
// folder when it is there, else the one installed beside the program or
// under its prefix (share/kvup); the working folder's name when none is.
// programFolder: the program's folder, ending with '/'.
std::string FindPropertiesFile(const std::string& programFolder);
std::string FindPropertiesFile();

// "_%Y_%m_%d_%H_%M_%S" of the local time; empty when it cannot be formatted.
std::string Suffix(std::time_t when);

// Configures the default hierarchy from the file (relative to the working
// directory). LOG_FILE_SUFFIX holds Suffix(now) while the file is read and
// its earlier value (empty when it was absent) afterwards. Without the file
// log4cplus stays unconfigured. Start-up thread, before other threads run.
void Configure(const std::string& propertiesFile = kPropertiesFile);

}  // namespace logsetup
