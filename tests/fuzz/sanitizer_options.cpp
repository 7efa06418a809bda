// Built into every fuzz target: the leak checker reads the project's list of
// leak reports from outside our code (each with its reason) without any
// setting on the command line, so a run as documented reports only ours.
extern "C" const char *__lsan_default_options() { return "suppressions=" QEL_LSAN_SUPPRESSIONS ":print_suppressions=0"; }
