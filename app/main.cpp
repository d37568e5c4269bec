int runOrbisk();

int main() { return runOrbisk(); }
