// Small pieces the uploader takes from the rest of the system, gathered in
// one place: ranges and retry counting, service addresses, the response
// envelope, and the reading of numbers from the service's answers.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <string>

namespace Json {
class Value;
}

namespace upload_support {

std::string ServiceUrl(const std::string& path);

// "status" of a refused envelope, as an unsigned 32-bit value.
uint32_t EnvelopeStatus(const Json::Value& root);
// "data"."file" when it is an object, else null.
const Json::Value* DataFile(const Json::Value& root);
// "description" when it is a string, else empty.
std::string Description(const Json::Value& root);
// A member that is absent or null reads 0; a non-negative integer reads as
// itself; anything else (negative, text, fraction) fails.
bool ReadCount(const Json::Value& object, const char* name, int64_t* out);

// Removes the task's cache folder below the data root.
void RemoveTaskCache(const std::string& dataRoot, int32_t taskIndex, const std::string& name);

}  // namespace upload_support
