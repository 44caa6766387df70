#pragma once

// A small reader of one JSON line, enough for the expected-output files beside the Access samples:
// objects, arrays, strings, numbers (kept as their text too), true, false, null.

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace orrin::test {

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text; // String: the text; Number: the number as written
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members; // in the order written

    const Json* find(const std::string& key) const
    {
        for (const auto& [k, v] : members) {
            if (k == key)
                return &v;
        }
        return nullptr;
    }
};

// Parses one line; throws std::runtime_error on malformed input.
Json parseJson(const std::string& line);

} // namespace orrin::test
