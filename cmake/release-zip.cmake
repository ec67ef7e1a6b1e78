# CPack post-build script: adds SHA256SUMS to the staged files and writes the
# zip again with a fixed file order, fixed times and no owner or change time,
# so packing one commit twice gives the same bytes. The time is
# SOURCE_DATE_EPOCH when set, else the commit's time.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${CPACK_REGSCAN_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0)
    # A tree without its history: still one fixed time, 2000-01-01.
    set(epoch 946684800)
  endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "unusable file time '${epoch}'")
endif()

set(staged ${CPACK_TEMPORARY_DIRECTORY})
set(sums "")
foreach(name IN LISTS CPACK_REGSCAN_FILES)
  if(NOT EXISTS ${staged}/${name})
    message(FATAL_ERROR "${name} was not staged")
  endif()
  file(SHA256 ${staged}/${name} hash)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${staged}/SHA256SUMS "${sums}")
# The zip keeps the mode: the packer's umask must not reach it.
file(CHMOD ${staged}/SHA256SUMS PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

set(names ${CPACK_REGSCAN_FILES} SHA256SUMS)
execute_process(COMMAND touch -d @${epoch} ${names} WORKING_DIRECTORY ${staged} COMMAND_ERROR_IS_FATAL ANY)
foreach(zip IN LISTS CPACK_PACKAGE_FILES)
  file(REMOVE ${zip})
  # -X: no owner or extra times; the DOS time in the zip is local time.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC zip -X -D -q ${zip} ${names}
                  WORKING_DIRECTORY ${staged} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
