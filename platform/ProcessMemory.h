// The program's memory as the system sees it.
#pragma once

// Gives the system back the memory that was freed but that the allocator
// keeps for later (after the start, when the tables' reading has left its
// working copies behind).
void ReturnFreedMemory();
