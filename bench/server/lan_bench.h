// The LAN server's figures beside their references, each in one run:
// relay latency between two players while a third's link is cut silently
// against none cut, and the time until the cut player's seat is free and
// told; idle cost with four players against the idle default server.
#pragma once

// Needs root: the cut runs the server and its players on two hosts of its
// own (network namespaces joined by a virtual link).
void MeasureLanCut(double seconds);
void MeasureLanIdle(double seconds);
