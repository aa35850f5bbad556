// The link messages kvup-client sends, as compact JSON text.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kvclient {

using CookieList = std::vector<std::pair<std::string, std::string>>;  // name, value

// {"type":T} with the cookies as "values" when there are any.
std::string TypeMessage(int type, const CookieList& cookies, const std::string& domain,
                        const std::string& path);
// {"type":20,"paths":[...]}
std::string DropMessage(const std::vector<std::string>& paths);

}  // namespace kvclient
