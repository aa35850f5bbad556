// The one way to put a text between single quotes in an SQL statement.
#pragma once

#include <string>

// The text with every single quote doubled; callers write the quotes around
// it: "... name='" + SqlQuote(name) + "';".
std::string SqlQuote(const std::string& text);
