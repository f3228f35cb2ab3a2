// Sanitizer suppressions built into the TiluUI tests (the sanitizers ask for them at start).
//  - fontconfig keeps its pattern, charset and language caches for the life of the process.
//  - pango initialises fontconfig on a thread of its own ("[pango] FcInit"); fontconfig and
//    glib synchronise that in code built without ThreadSanitizer, so it looks unordered.

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:FcCharSetCreate\n"
           "leak:FcLangSetCopy\n"
           "leak:FcValueSave\n";
}

extern "C" const char* __tsan_default_suppressions() {
    return "race:libfontconfig.so\n"
           "race:libglib-2.0.so\n"
           "race:libpango-1.0.so\n"
           "race:libpangoft2-1.0.so\n"
           "called_from_lib:libfontconfig.so\n";
}
