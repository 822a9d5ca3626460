# Run by CPack on the staged tree before it is packed: Debian keeps the programs of its games
# section in /usr/games, not /usr/bin. Everything else stays where the install rules put it;
# the program still finds its sounds as ../share/sparkler relative to itself.
set(staged "${CPACK_TEMPORARY_DIRECTORY}/usr")
if(EXISTS "${staged}/bin")
  file(RENAME "${staged}/bin" "${staged}/games")
endif()
