# Installs the desktop entry with its command named by the absolute path this install gives it
# (the prefix is known only now: `cmake --install --prefix`, the package's /usr). KWin lends its
# fake input, the paste keys on KDE Plasma, only to a program whose entry names it so.
file(READ "${ZUNA_DESKTOP_ENTRY}" entry)
string(REPLACE "\nExec=zuna-trep\n" "\nExec=${CMAKE_INSTALL_PREFIX}/${ZUNA_BINDIR}/zuna-trep\n"
       entry "${entry}")
set(written "${ZUNA_DESKTOP_WORK}/zuna-trep.desktop")
file(WRITE "${written}" "${entry}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${ZUNA_DATADIR}/applications" TYPE FILE
     FILES "${written}")
