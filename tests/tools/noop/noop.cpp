// Does nothing: warms up the Wine prefix and measures a trivial program's start.
int main() { return 0; }
