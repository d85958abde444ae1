# cmake -DIN=texts.cpp -DOUT=texts_gbk.cpp -P EncodeGbk.cmake
#
# For compilers without -fexec-charset=GBK (clang): converts IN to code page 936 and
# writes every byte of 0x80 or above as a \x escape closed by "" (so that a following
# hex digit never joins it), keeping the rest of the source as it is.
execute_process(COMMAND iconv -f UTF-8 -t GBK "${IN}" OUTPUT_FILE "${OUT}.gbk"
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "iconv could not convert ${IN} to GBK")
endif()
file(READ "${OUT}.gbk" hex HEX)
string(LENGTH "${hex}" length)
set(result "")
set(i 0)
while(i LESS length)
  string(SUBSTRING "${hex}" ${i} 2 byte)
  if(byte MATCHES "^[89a-f]")
    string(APPEND result "\\x${byte}\"\"")
  else()
    math(EXPR code "0x${byte}")
    string(ASCII ${code} char)
    string(APPEND result "${char}")
  endif()
  math(EXPR i "${i} + 2")
endwhile()
file(WRITE "${OUT}" "${result}")
