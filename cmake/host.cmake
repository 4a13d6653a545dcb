# The host build: the program over the POSIX stand-in, and its tests.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(kalvo_logic PRIVATE -Wall -Wextra -Wpedantic)
endif()

# The names of the box's texts, for the tests that ask for a text by name.
add_library(kalvo_text_keys STATIC install/text_keys.cpp)
target_include_directories(kalvo_text_keys PUBLIC ${CMAKE_SOURCE_DIR})

add_library(kalvo_wildcard STATIC platform/wildcard.cpp)
target_include_directories(kalvo_wildcard PUBLIC ${CMAKE_SOURCE_DIR})

add_library(kalvo_posix STATIC
  platform/posix/errors.cpp platform/posix/paths.cpp platform/posix/file_mode.cpp
  platform/posix/directory.cpp platform/posix/find.cpp platform/posix/copy.cpp
  platform/posix/move.cpp platform/posix/delete.cpp platform/posix/attributes.cpp
  platform/posix/message.cpp platform/posix/process.cpp platform/posix/ui.cpp
  platform/posix/code_page.cpp platform/posix/windows_folders.cpp platform/posix/file_handle.cpp)
target_link_libraries(kalvo_posix PUBLIC kalvo_wildcard)
target_compile_definitions(kalvo_posix PRIVATE _GNU_SOURCE)

# The target name "install" is reserved by CMake; the file is still named install.
add_executable(kalvo_install platform/posix/main.cpp)
target_link_libraries(kalvo_install PRIVATE kalvo_logic kalvo_posix)
set_target_properties(kalvo_install PROPERTIES OUTPUT_NAME install)

if(KALVO_TESTS)
  enable_testing()
  add_subdirectory(tests)
endif()
