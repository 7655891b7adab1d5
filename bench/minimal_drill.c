/* The least a drill written in C does before its prompt: the yardstick
   against which bench.sh sets iondrill's start-up. */
#include <stdio.h>

int main(void) {
    char buf[16];
    printf("Write the symbols and charges for the ions.\n\nHow many questions? ");
    fflush(stdout);
    (void)fgets(buf, sizeof buf, stdin);
    return 0;
}
