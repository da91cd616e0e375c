// Component registration that only records what was asked of it.
#pragma once

#include <string>
#include <vector>

#include "platform/component_registration.h"

namespace orvane {

class MemoryComponentRegistration : public ComponentRegistration {
 public:
  bool RegisterServer(const std::wstring& library) override {
    calls.push_back(library);
    return result;
  }

  std::vector<std::wstring> calls;  // the libraries, in call order
  bool result = true;
};

}  // namespace orvane
