# Hardening of the Linux builds, with the flags Debian builds its own packages with: fortified
# libc calls, a stack protector, relocations made read-only and bound at start, and
# position-independent programs. Not for the sanitizer and fuzz builds: the fortified variants of
# libc calls slip past AddressSanitizer's checks of them.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT SANITIZE)
  # Fortification needs optimisation (glibc warns without it), so Debug goes without. The -U
  # first, since some compilers (Ubuntu's) define _FORTIFY_SOURCE themselves.
  add_compile_options(
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  add_compile_options(-fstack-protector-strong)
  add_link_options(-Wl,-z,relro,-z,now)
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()
