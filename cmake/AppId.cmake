# The reverse-DNS name of the desktop entry, the icon and the AppStream data, in
# CPU_CHAT_APP_ID. Set it, or let it follow CPU_CHAT_HOMEPAGE:
#   https://github.com/OWNER/... or https://OWNER.github.io/...  io.github.OWNER.CpuChat
#   https://gitlab.com/OWNER/...                                 io.gitlab.OWNER.CpuChat
#   https://www.example.org/...                                  org.example.CpuChat
# Without a home page it is invalid.cpu_chat.CpuChat: the top-level domain "invalid"
# is kept for names that belong to nobody (RFC 2606), so no one's domain is claimed.
set(CPU_CHAT_APP_ID "" CACHE STRING "Reverse-DNS name of the desktop entry; empty: from CPU_CHAT_HOMEPAGE")
if(NOT CPU_CHAT_APP_ID)
  set(host cpu-chat.invalid)
  set(owner "")
  if(CPU_CHAT_HOMEPAGE MATCHES "^[A-Za-z]+://([^/:?#]+)[^/]*/?([^/?#]*)")
    string(TOLOWER ${CMAKE_MATCH_1} host)
    string(TOLOWER "${CMAKE_MATCH_2}" owner)
    string(REGEX REPLACE "^www\\." "" host ${host})
  elseif(CPU_CHAT_HOMEPAGE)
    message(FATAL_ERROR "CPU_CHAT_HOMEPAGE is no address: '${CPU_CHAT_HOMEPAGE}'")
  endif()
  if(host MATCHES "^(github|gitlab)\\.com$" AND owner)
    set(host ${owner}.${CMAKE_MATCH_1}.io)
  endif()
  # AppStream's parts hold letters, digits and underscores and begin with no digit.
  string(REPLACE "." ";" labels ${host})
  list(REVERSE labels)
  set(parts "")
  foreach(label IN LISTS labels)
    string(REGEX REPLACE "[^a-z0-9_]" "_" label ${label})
    string(REGEX REPLACE "^([0-9])" "_\\1" label ${label})
    list(APPEND parts ${label})
  endforeach()
  list(APPEND parts CpuChat)
  list(JOIN parts "." CPU_CHAT_APP_ID)
endif()
