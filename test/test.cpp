// test: reads one integer and prints it plus two.
#include <cstdint>
#include <iostream>

int main() {
  // A failed or empty read leaves 0, so such input prints 2.  Out-of-range
  // input saturates to the int limits, as the extraction stores it.
  int a = 0;
  std::cin >> a;
  // The sum wraps in 32 bits; unsigned arithmetic makes that defined.
  auto sum = static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + 2u);
  std::cout << sum;
  return 0;
}
