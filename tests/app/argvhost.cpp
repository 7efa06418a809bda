// Stands in for a dial command in the tests: writes its arguments, each
// followed by a NUL byte, to the file named by QEL_ARGV_OUT; then, as told by
// the environment, writes QEL_ARGV_SAY to standard error, waits QEL_ARGV_WAIT
// milliseconds and exits with QEL_ARGV_EXIT.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char **argv) {
  if (const char *out = std::getenv("QEL_ARGV_OUT")) {
    if (FILE *f = std::fopen(out, "wb")) {
      for (int i = 1; i < argc; ++i) {
        std::fputs(argv[i], f);
        std::fputc('\0', f);
      }
      std::fclose(f);
    }
  }
  if (const char *say = std::getenv("QEL_ARGV_SAY")) std::fprintf(stderr, "%s\n", say);
  if (const char *wait = std::getenv("QEL_ARGV_WAIT")) std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(wait)));
  const char *code = std::getenv("QEL_ARGV_EXIT");
  return code ? std::atoi(code) : 0;
}
