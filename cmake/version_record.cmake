# The program's file version, embedded in the executable from the project
# version: an ELF note on Linux, a VERSIONINFO resource on Windows.
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    set(PROJECT_VERSION_${part} 0)
  endif()
  if(PROJECT_VERSION_${part} GREATER 65535)
    message(FATAL_ERROR "Version part ${part} must fit in 16 bits")
  endif()
endforeach()

if(WIN32)
  set(CORVANE_VERSION_SOURCE ${CMAKE_BINARY_DIR}/generated/version_record.rc)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/version_record.rc.in ${CORVANE_VERSION_SOURCE} @ONLY)
else()
  set(CORVANE_VERSION_SOURCE ${CMAKE_BINARY_DIR}/generated/version_record.cpp)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/version_record.cpp.in ${CORVANE_VERSION_SOURCE} @ONLY)
endif()

target_sources(corvane PRIVATE ${CORVANE_VERSION_SOURCE})
# The version test reads its own file the way the tool does.
if(TARGET tst_version)
  target_sources(tst_version PRIVATE ${CORVANE_VERSION_SOURCE})
endif()
