/* The program that carries the refused manifest (bad_manifest.rc). */
int main(void) { return 0; }
