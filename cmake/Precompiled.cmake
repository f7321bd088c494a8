# Precompiled headers. Parsing the standard library, GoogleTest and Qt took a
# large share of every compile; each set below is now parsed once per build
# folder and shared by all targets of its kind, whose compile flags are the
# same (CMake adds -Winvalid-pch for GCC, which warns if a compile ever turns
# its header away). CMAKE_DISABLE_PRECOMPILE_HEADERS=ON builds without them.
#   std      the plain C++ libraries and benchmarks
#   test     the test binaries and their fakes: std and GoogleTest
#   qt       the Qt front end, the viewer and the Qt benchmarks: std and Qt
#   qt_test  the Qt front end's tests: qt and GoogleTest

set(vellumo_pch_std
  <algorithm> <atomic> <cstdint> <cstring> <functional> <memory> <mutex>
  <optional> <string> <string_view> <thread> <vector>)
set(vellumo_pch_test ${vellumo_pch_std} <gtest/gtest.h>)
set(vellumo_pch_qt ${vellumo_pch_std}
  <QApplication> <QElapsedTimer> <QImage> <QKeyEvent> <QMouseEvent> <QObject>
  <QPainter> <QPixmap> <QScreen> <QString> <QWidget> <QWindow>)
set(vellumo_pch_qt_test ${vellumo_pch_qt} <gtest/gtest.h>)

# GCC (12 here) drops a header's "#pragma GCC diagnostic" when the header
# comes from a precompiled one: code instantiated or inlined later warns as if
# the pragma were not there. libstdc++ turns three warnings off around its
# string copies (false alarms of the optimiser on code as plain as
# std::string(30, 'x') + "a"); they stay off in our code too. A build without
# precompiled headers keeps them.
set(vellumo_pch_warnings)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT CMAKE_DISABLE_PRECOMPILE_HEADERS)
  set(vellumo_pch_warnings -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread)
endif()

# The first target of a kind builds its header; the others reuse it.
function(vellumo_precompile target kind)
  target_compile_options(${target} PRIVATE ${vellumo_pch_warnings})
  get_property(host GLOBAL PROPERTY vellumo_pch_host_${kind})
  if(host)
    target_precompile_headers(${target} REUSE_FROM ${host})
  else()
    target_precompile_headers(${target} PRIVATE ${vellumo_pch_${kind}})
    set_property(GLOBAL PROPERTY vellumo_pch_host_${kind} ${target})
  endif()
endfunction()
