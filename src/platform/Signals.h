// Requests from outside to end the program (SIGTERM and SIGINT on POSIX systems), turned
// into something an event loop can wait for: a descriptor that becomes readable when one
// arrived. The handler itself only writes a byte; everything else happens in the loop.
#pragma once

namespace verid {

// Starts catching the requests (the descriptor is made once and kept); returns it, or -1
// when none can be made (the requests then keep their default effect).
int StartTerminationRequests();
// Gives the requests their default effect again.
void StopTerminationRequests();
// Reads what arrived on the descriptor; true when at least one request did.
bool TakeTerminationRequests();

}  // namespace verid
