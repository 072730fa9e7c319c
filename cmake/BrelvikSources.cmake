# Platform code sits beside its interface as name_posix.cpp / name_win32.cpp;
# this picks the right one so no caller needs an #ifdef.
function(brelvik_glob_sources out_var dir)
  file(GLOB _all CONFIGURE_DEPENDS "${dir}/*.cpp")
  set(_kept)
  foreach(_f IN LISTS _all)
    get_filename_component(_name "${_f}" NAME_WE)
    if(WIN32 AND _name MATCHES "_posix$")
      continue()
    endif()
    if(NOT WIN32 AND _name MATCHES "_win32$")
      continue()
    endif()
    if(_name MATCHES "_wx$")   # window files belong to the GUI target
      continue()
    endif()
    list(APPEND _kept "${_f}")
  endforeach()
  set(${out_var} "${_kept}" PARENT_SCOPE)
endfunction()

function(brelvik_glob_wx_sources out_var dir)
  file(GLOB _wx CONFIGURE_DEPENDS "${dir}/*_wx.cpp")
  set(${out_var} "${_wx}" PARENT_SCOPE)
endfunction()

# Warnings are errors in our own code only; system headers stay quiet.
function(brelvik_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  endif()
endfunction()
