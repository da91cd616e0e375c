// Registration of a COM server library of the system (its DllRegisterServer).
#pragma once

#include <string>

namespace orvane {

class ComponentRegistration {
 public:
  virtual ~ComponentRegistration() = default;
  // Loads the library (a file name of the system folder), calls its
  // registration entry and releases it. True when the entry reported success.
  virtual bool RegisterServer(const std::wstring& library) = 0;
};

}  // namespace orvane
