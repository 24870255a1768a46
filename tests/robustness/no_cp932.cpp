// SPDX-License-Identifier: MIT
// Stands for a C library without code page 932: its converter cannot be opened. Loaded into
// the program with LD_PRELOAD by the robustness cases.
#include <dlfcn.h>
#include <iconv.h>
#include <strings.h>

#include <cerrno>

extern "C" iconv_t iconv_open(const char* to, const char* from) {
  if (strcasecmp(to, "CP932") == 0 || strcasecmp(from, "CP932") == 0) {
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
  }
  using Open = iconv_t (*)(const char*, const char*);
  static const Open real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "iconv_open"));
  return real(to, from);
}
