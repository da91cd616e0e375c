#include "platform/windows/windows_component_registration.h"

#include <windows.h>

#include "platform/windows/system_library.h"

namespace orvane {

bool WindowsComponentRegistration::RegisterServer(const std::wstring& library) {
  using RegisterFn = HRESULT(STDAPICALLTYPE*)();
  SystemLibrary module(library);
  auto registerServer = module.FindAs<RegisterFn>("DllRegisterServer");
  if (registerServer == nullptr) return false;
  return SUCCEEDED(registerServer());
}

}  // namespace orvane
