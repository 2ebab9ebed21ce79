#ifndef VEMO_CREW_NOINLINE_H
#define VEMO_CREW_NOINLINE_H

// Marks work kept out of line on purpose: the host calls a vessel's post-step every frame,
// and the call that has nothing to do should cost a few instructions, not the frame set-up
// of the rare work beside it.
#if defined(_MSC_VER)
#define VEMO_NOINLINE __declspec(noinline)
#else
#define VEMO_NOINLINE __attribute__((noinline))
#endif

#endif  // VEMO_CREW_NOINLINE_H
