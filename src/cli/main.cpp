#include <cstdio>

int main(int, char**) {
    std::fputs("tessaly-convert: not built yet\n", stderr);
    return 2;
}
