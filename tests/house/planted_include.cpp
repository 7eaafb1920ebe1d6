// Planted into a library of the bottom layer by the include test: a header
// it must not reach. PLANTED is the include line.
#include PLANTED

int main() { return 0; }
