# Where the native Linux build installs its files, below CMAKE_INSTALL_PREFIX (GNUInstallDirs: with
# the prefix /usr on Debian the library folder is lib/<multiarch>). The control library is private
# to tapvane, so it goes into a folder of the program's own, off the linker's search path; the
# manual is data the program opens, not optional documentation, so it stays out of share/doc
# (which minimal systems leave out).
include(GNUInstallDirs)
set(CLICKORA_INSTALL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/clickora)
set(CLICKORA_INSTALL_MANUALDIR ${CMAKE_INSTALL_DATADIR}/clickora/manual)
# The same folders as the installed program sees them from its own folder.
file(RELATIVE_PATH CLICKORA_PRIVATE_LIBDIR_FROM_BINDIR ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${CLICKORA_INSTALL_PRIVATE_LIBDIR})
file(RELATIVE_PATH CLICKORA_MANUALDIR_FROM_BINDIR ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${CLICKORA_INSTALL_MANUALDIR})
