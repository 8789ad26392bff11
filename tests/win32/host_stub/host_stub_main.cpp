// A stand-in for the host's program: only its name and version resource matter, it is never
// started.
int main() { return 0; }
