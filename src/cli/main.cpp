// Placeholder: the command-line companion is built on its own branch.
#include <cstdio>

int main() {
    std::puts("quillon-cli: not built yet");
    return 2;
}
