// Process entry of Kestrova. The main window is not built yet; this entry only proves that
// every library links into the executable.
#include <cstdio>

int main() {
  std::puts("Kestrova: the main window is not built yet.");
  return 0;
}
