// Entry point of the swu command.

int main() { return 0; }
