#include <cstdio>

int main() {
  std::puts("Tarnwick: every layer below the window is built; the window itself comes later.");
  return 0;
}
