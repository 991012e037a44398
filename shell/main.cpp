// Placeholder entry point until the browser shell lands: it says so and exits.
#include <cstdio>

int main() {
  std::puts("Tovarin 1.2: the browser shell is not built yet; run the tests with scripts/run-tests.");
  return 0;
}
