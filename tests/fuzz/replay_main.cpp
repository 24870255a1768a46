// SPDX-License-Identifier: MIT
// Runs a fuzz target's committed inputs once each, without libFuzzer: the target's own
// checks abort on a failed invariant, and the sanitizers the build carries stop the process
// at their first report. Each argument is an input file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  for (int i = 1; i < argc; ++i) {
    std::ifstream file(argv[i], std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 2;
    }
    const std::vector<uint8_t> input{std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>()};
    std::fprintf(stderr, "replaying %s\n", argv[i]);
    static const uint8_t kNothing = 0;  // as libFuzzer does, never a null pointer
    LLVMFuzzerTestOneInput(input.empty() ? &kNothing : input.data(), input.size());
  }
  std::fprintf(stderr, "%d inputs replayed\n", argc - 1);
  return 0;
}
