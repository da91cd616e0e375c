// A Registry that passes every call on to another one and counts the calls
// by kind: how much registry work an operation does, whatever the registry.
#pragma once

#include <atomic>
#include <cstddef>

#include "platform/registry.h"

namespace orvane {

class CountingRegistry : public Registry {
 public:
  explicit CountingRegistry(Registry& inner) : inner_(inner) {}

  size_t opens() const { return opens_; }
  size_t queries() const { return queries_; }
  size_t enumerations() const { return enumerations_; }
  // Opens, value queries, subkey enumerations, writes and hive operations.
  size_t total() const { return opens_ + queries_ + enumerations_ + others_; }
  void Reset() { opens_ = queries_ = enumerations_ = others_ = 0; }

  long OpenKey(uint32_t root, const std::wstring& path, uint32_t access, Key* key) override {
    ++opens_;
    return inner_.OpenKey(root, path, access, key);
  }
  long CreateKey(uint32_t root, const std::wstring& path, uint32_t access, Key* key) override {
    ++others_;
    return inner_.CreateKey(root, path, access, key);
  }
  long QueryValue(Key key, const std::wstring& name, uint32_t* type, uint32_t* size,
                  std::vector<uint8_t>* data) override {
    ++queries_;
    return inner_.QueryValue(key, name, type, size, data);
  }
  long SetValue(Key key, const std::wstring& name, uint32_t type, const uint8_t* data, uint32_t size) override {
    ++others_;
    return inner_.SetValue(key, name, type, data, size);
  }
  long EnumKey(Key key, uint32_t index, std::wstring* name) override {
    ++enumerations_;
    return inner_.EnumKey(key, index, name);
  }
  void CloseKey(Key key) override { inner_.CloseKey(key); }
  long LoadHive(const std::wstring& name, const std::wstring& file) override {
    ++others_;
    return inner_.LoadHive(name, file);
  }
  long UnloadHive(const std::wstring& name) override {
    ++others_;
    return inner_.UnloadHive(name);
  }
  bool SetPrivilege(const std::wstring& privilege, bool enable) override {
    return inner_.SetPrivilege(privilege, enable);
  }

 private:
  Registry& inner_;
  std::atomic<size_t> opens_{0};
  std::atomic<size_t> queries_{0};
  std::atomic<size_t> enumerations_{0};
  std::atomic<size_t> others_{0};
};

}  // namespace orvane
