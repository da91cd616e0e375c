#include "platform/posix/mspack_decompressor.h"

#include <mspack.h>

#include <string>

#include "platform/posix/posix_file_system.h"

namespace orvane {

namespace {

// The first file of a cabinet.
bool ExtractFirstCabinetFile(const std::string& from, const std::string& to) {
  mscab_decompressor* cab = mspack_create_cab_decompressor(nullptr);
  if (cab == nullptr) return false;
  bool ok = false;
  if (mscabd_cabinet* cabinet = cab->open(cab, from.c_str())) {
    if (cabinet->files != nullptr) ok = cab->extract(cab, cabinet->files, to.c_str()) == MSPACK_ERR_OK;
    cab->close(cab, cabinet);
  }
  mspack_destroy_cab_decompressor(cab);
  return ok;
}

bool ExpandSzdd(const std::string& from, const std::string& to) {
  msszdd_decompressor* szdd = mspack_create_szdd_decompressor(nullptr);
  if (szdd == nullptr) return false;
  const bool ok = szdd->decompress(szdd, from.c_str(), to.c_str()) == MSPACK_ERR_OK;
  mspack_destroy_szdd_decompressor(szdd);
  return ok;
}

}  // namespace

bool MspackDecompressor::DecompressOrCopy(const std::wstring& from, const std::wstring& to) {
  PosixFileSystem files;
  std::string bytes;
  if (!files.ReadFile(from, &bytes)) return false;
  const std::string magic = bytes.substr(0, 4);
  if (magic == "MSCF") return ExtractFirstCabinetFile(HostPath(from), HostPath(to));
  if (magic == "SZDD") return ExpandSzdd(HostPath(from), HostPath(to));
  return files.WriteFile(to, bytes);
}

}  // namespace orvane
