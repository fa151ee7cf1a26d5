#pragma once

// Strict reading of JSON documents into records, shared by the state file, the exchange files
// and the store. Internal to core: nothing outside it sees nlohmann's types.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace zuna::json {

using Json = nlohmann::json;

// Deeper documents are refused: no record of the program nests more than a few levels.
inline constexpr std::size_t kMaxDepth = 100;

// Parses one UTF-8 JSON document, with nothing but white space after it; a byte-order mark at
// the start is skipped (the writer never puts one back). Throws JsonError with a one-line
// description: where the syntax fails, a NUL byte, invalid UTF-8, or nesting deeper than
// kMaxDepth.
Json parse(std::string_view bytes);

// Where a value sits in its document, for error messages; built on the stack, rendered only when
// something fails ("groups[0].buttons[2].name").
struct Path {
    const Path* parent = nullptr;
    std::string_view key;
    std::size_t index = 0;
    bool isIndex = false;

    Path member(std::string_view name) const { return Path{this, name, 0, false}; }
    Path element(std::size_t i) const { return Path{this, {}, i, true}; }
    std::string render() const;
};

// Required member of an object that was checked to be one. Missing: JsonError.
Json& required(Json& object, std::string_view name, const Path& at);
// Optional member: nullptr when absent or null.
Json* optional(Json& object, std::string_view name);

Json& asObject(Json& value, const Path& at);
Json& asArray(Json& value, const Path& at);
// Moves the string out of the document.
std::string takeString(Json& value, const Path& at);
std::int64_t asInteger(const Json& value, const Path& at);
double asNumber(const Json& value, const Path& at);
bool asBool(const Json& value, const Path& at);

// Encodes with two-space indentation, members sorted by name, plain slashes and UTF-8 as is.
std::string dump(const Json& value);

}  // namespace zuna::json
