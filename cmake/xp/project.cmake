# Included by the i686 toolchain right after project(Lakeglass): once every folder is read,
# each program and DLL of the 32-bit build links the stand-in for GetTickCount64, so that the
# saver and its tests start on Windows XP SP3.
enable_language(C)
add_library(xp_tick_count64 OBJECT ${CMAKE_CURRENT_LIST_DIR}/tick_count64.c)

function(lakeglass_link_xp_stand_in folder)
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
      target_link_libraries(${target} PRIVATE xp_tick_count64)
    endif()
  endforeach()
  get_property(folders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
  foreach(child IN LISTS folders)
    lakeglass_link_xp_stand_in(${child})
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL lakeglass_link_xp_stand_in ${CMAKE_SOURCE_DIR})
