#include <cstdio>

int main() {
  std::fputs("lorvane-cli 2026.4.19-1030\n", stdout);
  return 0;
}
