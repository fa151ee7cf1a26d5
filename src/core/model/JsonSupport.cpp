#include "core/model/JsonSupport.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "core/model/Errors.h"

namespace zuna::json {

namespace {

struct TooDeep {};

// The library's own document builder, with a bound on nesting.
class DepthLimitedParser : public nlohmann::detail::json_sax_dom_parser<Json> {
    using Base = nlohmann::detail::json_sax_dom_parser<Json>;

  public:
    explicit DepthLimitedParser(Json& result) : Base(result, true) {}

    bool start_object(std::size_t elements) {
        enter();
        return Base::start_object(elements);
    }
    bool end_object() {
        --depth_;
        return Base::end_object();
    }
    bool start_array(std::size_t elements) {
        enter();
        return Base::start_array(elements);
    }
    bool end_array() {
        --depth_;
        return Base::end_array();
    }

  private:
    void enter() {
        if (++depth_ > kMaxDepth) throw TooDeep{};
    }
    std::size_t depth_ = 0;
};

// "[json.exception.parse_error.101] parse error at line 1, column 5: syntax error while parsing
// value - invalid literal; last read: 'tru?'" -> the part between the tag and "; last read",
// which may hold raw bytes of the input.
std::string describeParseError(const nlohmann::json::parse_error& error) {
    std::string text = error.what();
    if (const auto tagEnd = text.find("] ");
        text.rfind("[json.exception", 0) == 0 && tagEnd != std::string::npos) {
        text.erase(0, tagEnd + 2);
    }
    if (const auto lastRead = text.find("; last read:"); lastRead != std::string::npos) {
        text.erase(lastRead);
    }
    return "The file is not valid JSON: " + text + ".";
}

std::string typeName(const Json& value) {
    switch (value.type()) {
        case Json::value_t::null:
            return "null";
        case Json::value_t::object:
            return "an object";
        case Json::value_t::array:
            return "an array";
        case Json::value_t::string:
            return "a string";
        case Json::value_t::boolean:
            return "true or false";
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
            return "an integer";
        case Json::value_t::number_float:
            return "a number with a fraction or exponent";
        default:
            return "an unsupported value";
    }
}

[[noreturn]] void wrongType(const Json& value, const Path& at, std::string_view expected) {
    throw JsonError("\"" + at.render() + "\" must be " + std::string(expected) + ", not " +
                    typeName(value) + ".");
}

}  // namespace

Json parse(std::string_view bytes) {
    // The parser takes a NUL byte for the end of the input, so a document followed by NULs and
    // anything else (the tail of a torn write) would read as whole. JSON text never holds one.
    if (const auto nul = bytes.find('\0'); nul != std::string_view::npos) {
        const std::string_view before = bytes.substr(0, nul);
        const auto line = std::count(before.begin(), before.end(), '\n') + 1;
        const auto lineStart = before.rfind('\n');
        const auto column = nul - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
        throw JsonError("The file is not valid JSON: a NUL byte at line " + std::to_string(line) +
                        ", column " + std::to_string(column) + ".");
    }
    Json result;
    DepthLimitedParser builder(result);
    try {
        Json::sax_parse(bytes, &builder);
    } catch (const TooDeep&) {
        throw JsonError("The file is not valid JSON here: it is nested more than " +
                        std::to_string(kMaxDepth) + " levels deep.");
    } catch (const nlohmann::json::parse_error& error) {
        throw JsonError(describeParseError(error));
    } catch (const nlohmann::json::exception& error) {
        throw JsonError(std::string("The file is not valid JSON: ") + error.what());
    }
    return result;
}

std::string Path::render() const {
    std::vector<const Path*> chain;
    for (const Path* p = this; p != nullptr; p = p->parent)
        chain.push_back(p);
    std::string text;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const Path& p = **it;
        if (p.isIndex) {
            text += "[" + std::to_string(p.index) + "]";
        } else if (!p.key.empty()) {
            if (!text.empty()) text += ".";
            text += p.key;
        }
    }
    return text.empty() ? "the top-level value" : text;
}

Json& required(Json& object, std::string_view name, const Path& at) {
    const auto found = object.find(name);
    if (found == object.end()) {
        const std::string where = at.render();
        throw JsonError(
            "The member \"" + std::string(name) + "\" is missing" +
            (at.parent == nullptr && at.key.empty() ? std::string() : " in \"" + where + "\"") +
            ".");
    }
    return *found;
}

Json* optional(Json& object, std::string_view name) {
    const auto found = object.find(name);
    if (found == object.end() || found->is_null()) return nullptr;
    return &*found;
}

Json& asObject(Json& value, const Path& at) {
    if (!value.is_object()) wrongType(value, at, "an object");
    return value;
}

Json& asArray(Json& value, const Path& at) {
    if (!value.is_array()) wrongType(value, at, "an array");
    return value;
}

std::string takeString(Json& value, const Path& at) {
    if (!value.is_string()) wrongType(value, at, "a string");
    return std::move(value.get_ref<std::string&>());
}

std::int64_t asInteger(const Json& value, const Path& at) {
    if (value.is_number_integer() && !value.is_number_unsigned()) {
        return value.get<std::int64_t>();
    }
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return static_cast<std::int64_t>(number);
        }
        throw JsonError("\"" + at.render() + "\" is an integer too large to read.");
    }
    wrongType(value, at, "an integer");
}

double asNumber(const Json& value, const Path& at) {
    if (!value.is_number()) wrongType(value, at, "a number");
    return value.get<double>();
}

bool asBool(const Json& value, const Path& at) {
    if (!value.is_boolean()) wrongType(value, at, "true or false");
    return value.get<bool>();
}

std::string dump(const Json& value) {
    try {
        return value.dump(2, ' ', /*ensure_ascii=*/false, Json::error_handler_t::strict);
    } catch (const nlohmann::json::exception& error) {
        throw JsonError(std::string("The data cannot be written as JSON: ") + error.what());
    }
}

}  // namespace zuna::json
