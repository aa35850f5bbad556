// The string containers the program's interfaces are written in.
#pragma once

#include <list>
#include <map>
#include <string>

using CString = std::string;
using CStringList = std::list<std::string>;
using CMapStringToString = std::map<std::string, std::string>;
