# Reads the version and the date of the top entry of debian/changelog:
#   cpu-chat (2.1.5.6) unstable; urgency=medium
#   ...
#    -- Name <address>  Tue, 08 Dec 2026 12:00:00 +0000
# into CPU_CHAT_RELEASE_VERSION (2.1.5.6: an epoch and a Debian revision are left
# out) and CPU_CHAT_RELEASE_DATE (2026-12-08).
set(changelog ${CMAKE_CURRENT_LIST_DIR}/../debian/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
file(STRINGS ${changelog} heading LIMIT_COUNT 1 REGEX "^[a-z0-9.+-]+ \\(")
file(STRINGS ${changelog} trailer LIMIT_COUNT 1 REGEX "^ -- ")
if(NOT heading MATCHES "^[a-z0-9.+-]+ \\(([0-9]+:)?([0-9][0-9.]*)[^)]*\\)")
  message(FATAL_ERROR "debian/changelog: no version in the top entry's first line: '${heading}'")
endif()
set(CPU_CHAT_RELEASE_VERSION ${CMAKE_MATCH_2})
if(NOT trailer MATCHES ">  [A-Z][a-z][a-z], ([0-9]?[0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "debian/changelog: no date in the top entry's last line: '${trailer}'")
endif()
set(day ${CMAKE_MATCH_1})
set(year ${CMAKE_MATCH_3})
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} month)
if(month LESS 0)
  message(FATAL_ERROR "debian/changelog: unknown month in '${trailer}'")
endif()
math(EXPR month "${month} + 1")
foreach(part day month)
  string(LENGTH "${${part}}" digits)
  if(digits EQUAL 1)
    set(${part} 0${${part}})
  endif()
endforeach()
set(CPU_CHAT_RELEASE_DATE ${year}-${month}-${day})
