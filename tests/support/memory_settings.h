// Settings in memory in place of the settings file.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/text.h"

namespace wk::testing {

// Settings kept in memory; records the order of writes and can be told to fail them.
class MemorySettings final : public SettingsStore {
  public:
    std::map<std::string, std::int32_t> ints;
    std::vector<std::string> writes;
    int syncs = 0;
    bool failWrites = false;

    std::optional<std::int32_t> ReadInt(std::string_view name) override {
        auto it = ints.find(std::string(name));
        if (it == ints.end()) return std::nullopt;
        return it->second;
    }
    bool WriteInt(std::string_view name, std::int32_t value) override {
        if (failWrites) return false;
        ints[std::string(name)] = value;
        writes.push_back(std::string(name) + "=" + std::to_string(value));
        return true;
    }
    bool WriteString(std::string_view name, std::u16string_view text) override {
        if (failWrites) return false;
        writes.push_back(std::string(name) + "='" + Utf16ToUtf8(text) + "'");
        return true;
    }
    bool Sync() override {
        ++syncs;
        return !failWrites;
    }
};

}  // namespace wk::testing
