# Included at the end of every project() of a MinGW build (mingw-w64.cmake):
# the same sources make the same program bytes in any folder, at any time.
# - No link time in the PE header, where the linker writes its clock by default.
# - The source and build folders are written as "." and "build" wherever the
#   compiler keeps a path: __FILE__ in our code and in library headers, and
#   debug information.
add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
add_link_options(-Wl,--no-insert-timestamp)
