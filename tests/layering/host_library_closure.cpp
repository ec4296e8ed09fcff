// Linked with every object of the host library and Qt Core alone: the link
// fails if any of them needs a window, and ldd then shows what it loads.
int main() {
    return 0;
}
