# How the driver splits lines into tokens: blanks, quotes, escaped quotes and comments.
	expect text InitEdit   "1.0"    # blanks and tabs separate tokens; a comment ends the line
set InitEdit "#1"
expect text InitEdit "#1"
set InitEdit a#b
expect text InitEdit "a#b"
set InitEdit "two  blanks"
expect text InitEdit "two  blanks"
set InitEdit "say \"hi\""
expect text InitEdit "say \"hi\""
set InitEdit ""
expect text InitEdit ""
set InitEdit "\DATA\iris.dat"
expect text InitEdit \DATA\iris.dat
