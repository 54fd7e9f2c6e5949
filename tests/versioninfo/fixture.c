/* The code of the test files whose version resources the tests read; it is
   never run. */
int main(void) { return 0; }
