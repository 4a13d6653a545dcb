# The real product: install.exe, a 32-bit Windows GUI program that imports
# only KERNEL32, USER32 and msvcrt. None of the stand-in goes into it.
enable_language(RC)

# No -fdata-sections: mingw-w64's linker script puts .bss.* sections into
# .data, so every zero-filled static buffer would be written into the file.
set(KALVO_WIN32_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -Wall -Wextra)
target_compile_options(kalvo_logic PRIVATE ${KALVO_WIN32_FLAGS})
# ANSI calls throughout: the program's strings are 8-bit in the active code page.
target_compile_definitions(kalvo_logic PUBLIC WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)

# The version resource and the manifest take the project's version, the
# only place it is written, in Windows' four parts.
set(KALVO_VERSION_FULL "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
string(REPLACE "." ", " KALVO_VERSION_COMMAS "${KALVO_VERSION_FULL}")
set(KALVO_MANIFEST "${CMAKE_BINARY_DIR}/install.manifest")
configure_file(platform/win32/install.manifest.in "${KALVO_MANIFEST}" @ONLY)
configure_file(platform/win32/install.rc.in "${CMAKE_BINARY_DIR}/install.rc" @ONLY)
# The resource script takes the manifest in by name: a new manifest is a new resource.
set_source_files_properties("${CMAKE_BINARY_DIR}/install.rc" PROPERTIES OBJECT_DEPENDS "${KALVO_MANIFEST}")

# startup.cpp is the entry point: it hardens the DLL search, then starts
# the runtime, which calls WinMain.
add_executable(kalvo_install WIN32 platform/win32/startup.cpp "${CMAKE_BINARY_DIR}/install.rc")
target_compile_options(kalvo_install PRIVATE ${KALVO_WIN32_FLAGS})
target_compile_definitions(kalvo_install PRIVATE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)
target_link_libraries(kalvo_install PRIVATE kalvo_logic)
set_target_properties(kalvo_install PROPERTIES OUTPUT_NAME install)
# Static runtimes so that a bare Windows runs it; stripped and trimmed, with
# a fixed entry, no time stamp, and the hardening flags of the PE header.
# The image registers no SEH handler (see tests/check_exe.sh), so it says so.
target_link_options(kalvo_install PRIVATE -mwindows -static -static-libgcc -static-libstdc++
    -s -Wl,--gc-sections -Wl,--entry=_KalvoStartup -Wl,--no-insert-timestamp
    -Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware -Wl,--no-seh)
# For tests only: the same program with a manifest that does not ask for
# UTF-8 as its code page, as Windows before 10 1903 ignores that line. It
# runs in the system's legacy code page, into build/win32/ansi/install.exe.
file(READ "${KALVO_MANIFEST}" KALVO_MANIFEST_TEXT)
string(REGEX REPLACE "[^\n]*activeCodePage[^\n]*\n" "" KALVO_MANIFEST_TEXT "${KALVO_MANIFEST_TEXT}")
set(KALVO_MANIFEST "${CMAKE_BINARY_DIR}/ansi/install.manifest")
file(WRITE "${KALVO_MANIFEST}" "${KALVO_MANIFEST_TEXT}")
configure_file(platform/win32/install.rc.in "${CMAKE_BINARY_DIR}/ansi/install.rc" @ONLY)
set_source_files_properties("${CMAKE_BINARY_DIR}/ansi/install.rc" PROPERTIES OBJECT_DEPENDS "${KALVO_MANIFEST}")
add_executable(kalvo_install_ansi WIN32 platform/win32/startup.cpp "${CMAKE_BINARY_DIR}/ansi/install.rc")
get_target_property(KALVO_EXE_OPTIONS kalvo_install COMPILE_OPTIONS)
get_target_property(KALVO_EXE_LINK_OPTIONS kalvo_install LINK_OPTIONS)
target_compile_options(kalvo_install_ansi PRIVATE ${KALVO_EXE_OPTIONS})
target_compile_definitions(kalvo_install_ansi PRIVATE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)
target_link_libraries(kalvo_install_ansi PRIVATE kalvo_logic)
target_link_options(kalvo_install_ansi PRIVATE ${KALVO_EXE_LINK_OPTIONS})
set_target_properties(kalvo_install_ansi PROPERTIES OUTPUT_NAME install
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/ansi")

# The build prints the exe's SHA-256: two builds of one commit give the same.
add_custom_command(TARGET kalvo_install POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E sha256sum $<TARGET_FILE:kalvo_install>)
