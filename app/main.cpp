#include "app/orbisk.h"

int main() { return runOrbisk(); }
