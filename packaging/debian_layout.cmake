# Run by CPack on the staged files before the Debian package is made: the game
# and its two tools move from usr/bin to usr/games, as Debian keeps games.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr")
file(MAKE_DIRECTORY "${root}/games")
foreach(program brazdovar brazdovar-sim brazdovar-imgconv)
  file(RENAME "${root}/bin/${program}" "${root}/games/${program}")
endforeach()
file(REMOVE_RECURSE "${root}/bin")
