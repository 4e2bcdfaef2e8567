# cmake -DIN=form.kfm -DOUT=form.kfm -DSTREAM=skin-file-or-empty -P EmbedSkinStream.cmake
# Writes the form description with its "SkinStream = {}" filled: a 32-bit little-endian
# length, then the bytes of the skin file, as hexadecimal text.
file(READ "${IN}" form)
set(hex "")
if(STREAM AND EXISTS "${STREAM}")
  file(READ "${STREAM}" data HEX)
  string(LENGTH "${data}" digits)
  math(EXPR size "${digits} / 2")
  math(EXPR b0 "${size} & 255")
  math(EXPR b1 "(${size} >> 8) & 255")
  math(EXPR b2 "(${size} >> 16) & 255")
  math(EXPR b3 "(${size} >> 24) & 255")
  foreach(b b0 b1 b2 b3)
    math(EXPR v "${${b}}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${v}" 2 -1 v)
    string(LENGTH "${v}" n)
    if(n EQUAL 1)
      set(v "0${v}")
    endif()
    string(APPEND hex "${v}")
  endforeach()
  string(APPEND hex "${data}")
  # Lines of 64 digits, as form descriptions keep binary data.
  string(REGEX REPLACE "([0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F])"
         "\\1\n      " hex "${hex}")
endif()
string(REPLACE "SkinStream = {}" "SkinStream = {\n      ${hex}}" form "${form}")
file(WRITE "${OUT}" "${form}")
