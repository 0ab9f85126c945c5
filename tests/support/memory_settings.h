// SPDX-License-Identifier: MIT
// Settings kept in memory in place of the settings file; can be told to fail writes.
#pragma once

#include <map>
#include <string>

#include "core/settings.h"

namespace wk::testing {

class MemorySettings final : public SettingsStore {
  public:
    std::map<std::string, std::int32_t> ints;
    bool failWrites = false;

    std::optional<std::int32_t> ReadInt(std::string_view name) override {
        auto it = ints.find(std::string(name));
        if (it == ints.end()) return std::nullopt;
        return it->second;
    }
    bool WriteInt(std::string_view name, std::int32_t value) override {
        if (failWrites) return false;
        ints[std::string(name)] = value;
        return true;
    }
    bool WriteString(std::string_view, std::u16string_view) override { return !failWrites; }
    bool Sync() override { return !failWrites; }
};

}  // namespace wk::testing
