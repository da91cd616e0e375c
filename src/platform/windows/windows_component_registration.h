// Registers a COM server library of the system folder through its
// DllRegisterServer entry.
#pragma once

#include "platform/component_registration.h"

namespace orvane {

class WindowsComponentRegistration : public ComponentRegistration {
 public:
  bool RegisterServer(const std::wstring& library) override;
};

}  // namespace orvane
