// zelvora-stamp: stamps one page and the pages it links to, from the command line.
int main() { return 0; }
