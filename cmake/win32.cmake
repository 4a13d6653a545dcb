# The real product: install.exe, a 32-bit Windows GUI program that imports
# only KERNEL32, USER32 and msvcrt. None of the stand-in goes into it.
enable_language(RC)

set(KALVO_WIN32_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections -Wall -Wextra)
target_compile_options(kalvo_logic PRIVATE ${KALVO_WIN32_FLAGS})
# ANSI calls throughout: the program's strings are 8-bit in the active code page.
target_compile_definitions(kalvo_logic PUBLIC WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)

add_executable(kalvo_install WIN32 platform/win32/install.rc)
target_link_libraries(kalvo_install PRIVATE kalvo_logic)
set_target_properties(kalvo_install PROPERTIES OUTPUT_NAME install)
# Static runtimes so that a bare Windows runs it; stripped and trimmed.
target_link_options(kalvo_install PRIVATE -mwindows -static -static-libgcc -static-libstdc++
    -s -Wl,--gc-sections -Wl,--dynamicbase -Wl,--nxcompat -Wl,--no-insert-timestamp)
