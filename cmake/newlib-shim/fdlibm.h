/* Stands in for newlib's fdlibm.h, which the routines include first only to learn which
   generation of the math code to compile: the current one. */
#define __OBSOLETE_MATH 0
