# Interface target for the office's UNO C++ API. Filled in by the presentation layer.
add_library(sf_uno INTERFACE)
