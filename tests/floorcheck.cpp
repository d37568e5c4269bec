// The program each floor's link check builds: the floor's library is linked
// whole, so every symbol it needs must come from the floors below it.
int main() { return 0; }
