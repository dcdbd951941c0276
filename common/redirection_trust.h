#pragma once

// Asks the system not to follow junctions that a non-administrator created
// while this process opens files (the redirection trust mitigation, known as
// RedirectionGuard).  Where the system does not offer it (Windows before
// 10 version 21H2 or so, Wine) nothing changes; the result is not needed,
// since every act is judged by handle anyway.  It covers junctions only: not
// symbolic links (which need an administrator or developer mode to create),
// not hard links, and not junctions an administrator made.
void AskNotToFollowUntrustedJunctions();
