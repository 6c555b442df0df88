# Appends "KORVO-STANDIN-SIZE=<ten digits>\n" to FILE, the digits giving the
# file's whole length with this line: the stand-in stock launcher checks it
# at start and refuses to run when it was cut short, as a cut launcher on
# the console would not run either.
file(SIZE "${FILE}" size)
math(EXPR total "${size} + 30")
set(digits "${total}")
string(LENGTH "${digits}" length)
while(length LESS 10)
  set(digits "0${digits}")
  string(LENGTH "${digits}" length)
endwhile()
file(APPEND "${FILE}" "KORVO-STANDIN-SIZE=${digits}\n")
