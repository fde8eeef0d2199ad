// test: reads one integer and prints it plus two.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>

int main() {
  // A failed or empty read leaves 0, so such input prints 2.  Out-of-range
  // input saturates to the int limits, as the extraction stores it.
  int a = 0;
  std::cin >> a;
  // The sum wraps in 32 bits; unsigned arithmetic makes that defined.
  auto sum = static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + 2u);
  // A write that fails (a full disk, a closed descriptor) is reported, not
  // passed over as success.
  errno = 0;
  std::cout << sum << std::flush;
  if (!std::cout) {
    std::fprintf(stderr, "test: cannot write the answer: %s\n",
                 errno ? std::strerror(errno) : "write error");
    return 1;
  }
  return 0;
}
