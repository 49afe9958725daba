// ThreadSanitizer's settings for the thread tests, built in, so that a run by hand gets them as
// ctest does: stop at the first report, and leave alone what it cannot see inside Qt.
extern "C" const char* __tsan_default_options() {
    return "halt_on_error=1:second_deadlock_stack=1:suppressions=" DATEMARK_TESTS_DIR "/tsan.supp";
}
