// placeholder: the drum kit generator
int main() { return 0; }
