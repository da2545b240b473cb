# launcher_require_icon_file(<variable> <path>)
# Stops the configure step, naming <variable> and the file, unless <path> is a Windows icon file:
# an ICONDIR (reserved 0, type 1, at least one image) whose directory and every image it lists lie
# within the file. An image file of a kind a designer delivers (PNG, BMP, JPEG, GIF, SVG) is named
# as such, with the way to make an icon from it. The images themselves are left to the resource
# compiler. An icon without one of the sizes Windows shows most (16, 32, 48 and 256 pixels) draws
# a warning naming them: Windows then scales another image, blurred.
#
# Also runs as a script, for the tests: cmake -DICON=<path> -P IconFile.cmake
function(launcher_require_icon_file variable path)
  set(prefix "${variable}:\n  '${path}'")
  if(IS_DIRECTORY "${path}")
    message(FATAL_ERROR "${prefix} is a folder, expected an icon file (.ico)")
  elseif(NOT EXISTS "${path}")
    message(FATAL_ERROR "${prefix} does not exist, expected an icon file (.ico)")
  endif()
  file(SIZE "${path}" file_size)
  _launcher_image_kind(kind "${path}")
  if(kind)
    message(FATAL_ERROR "${prefix} is a ${kind} image, not an icon file (.ico). Make one from "
                        "16, 32, 48 and 256-pixel PNG images with ImageMagick: convert 16.png "
                        "32.png 48.png 256.png product.ico (docs/deployment.md, Icon)")
  endif()
  if(file_size LESS 6)
    message(FATAL_ERROR "${prefix} is not an icon file: ${file_size} bytes, too short for an "
                        "icon directory (6 bytes)")
  endif()
  file(READ "${path}" header LIMIT 6 HEX)
  _launcher_icon_u16(reserved "${header}" 0)
  _launcher_icon_u16(type "${header}" 2)
  _launcher_icon_u16(count "${header}" 4)
  if(NOT reserved EQUAL 0 OR NOT type EQUAL 1)
    message(FATAL_ERROR "${prefix} is not an icon file: its header has reserved ${reserved} and "
                        "type ${type}, expected reserved 0 and type 1")
  endif()
  if(count EQUAL 0)
    message(FATAL_ERROR "${prefix} is not an icon file: its directory lists no image")
  endif()
  math(EXPR directory_end "6 + 16 * ${count}")
  if(directory_end GREATER file_size)
    message(FATAL_ERROR "${prefix} is not an icon file: its directory of ${count} images needs "
                        "${directory_end} bytes, the file has ${file_size}")
  endif()
  math(EXPR directory_size "16 * ${count}")
  file(READ "${path}" directory OFFSET 6 LIMIT ${directory_size} HEX)
  math(EXPR last "${count} - 1")
  set(sizes)
  foreach(index RANGE ${last})
    math(EXPR entry "16 * ${index}")
    math(EXPR size_at "${entry} + 8")
    math(EXPR offset_at "${entry} + 12")
    _launcher_icon_u32(image_size "${directory}" ${size_at})
    _launcher_icon_u32(image_offset "${directory}" ${offset_at})
    math(EXPR image_end "${image_offset} + ${image_size}")
    math(EXPR number "${index} + 1")
    if(image_size EQUAL 0 OR image_offset LESS directory_end OR image_end GREATER file_size)
      message(FATAL_ERROR "${prefix} is not an icon file: image ${number} of ${count} "
                          "(${image_size} bytes at offset ${image_offset}) does not lie between "
                          "the end of its directory (byte ${directory_end}) and the end of the "
                          "file (byte ${file_size})")
    endif()
    # Width and height are one byte each; 0 stands for 256.
    math(EXPR width_at "2 * ${entry}")
    string(SUBSTRING "${directory}" ${width_at} 2 width_hex)
    math(EXPR width "0x${width_hex}")
    if(width EQUAL 0)
      set(width 256)
    endif()
    list(APPEND sizes ${width})
  endforeach()
  set(missing)
  foreach(recommended 16 32 48 256)
    list(FIND sizes ${recommended} found)
    if(found EQUAL -1)
      list(APPEND missing ${recommended})
    endif()
  endforeach()
  if(missing)
    list(JOIN missing ", " missing_text)
    message(WARNING "${prefix} has no image of ${missing_text} pixels; Windows will scale "
                    "another image to those sizes (docs/deployment.md, Icon)")
  endif()
endfunction()

# The kind of image file whose first bytes `path` starts with, among those an icon is made from;
# empty for any other file.
function(_launcher_image_kind out path)
  file(READ "${path}" head LIMIT 8 HEX)
  file(READ "${path}" text LIMIT 256)
  set(kind "")
  if(head MATCHES "^89504e470d0a1a0a")
    set(kind PNG)
  elseif(head MATCHES "^424d")
    set(kind BMP)
  elseif(head MATCHES "^ffd8ff")
    set(kind JPEG)
  elseif(head MATCHES "^474946383[79]61")
    set(kind GIF)
  elseif(text MATCHES "<svg")
    set(kind SVG)
  endif()
  set(${out} "${kind}" PARENT_SCOPE)
endfunction()

# Little-endian unsigned fields of a hexadecimal dump, at a byte offset.
function(_launcher_icon_u16 out hex byte_offset)
  math(EXPR at "2 * ${byte_offset}")
  string(SUBSTRING "${hex}" ${at} 4 digits)
  string(SUBSTRING "${digits}" 0 2 low)
  string(SUBSTRING "${digits}" 2 2 high)
  math(EXPR value "0x${high}${low}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

function(_launcher_icon_u32 out hex byte_offset)
  _launcher_icon_u16(low "${hex}" ${byte_offset})
  math(EXPR high_offset "${byte_offset} + 2")
  _launcher_icon_u16(high "${hex}" ${high_offset})
  math(EXPR value "${high} * 65536 + ${low}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  launcher_require_icon_file(ICON "${ICON}")
  message(STATUS "${ICON}: an icon file")
endif()
