/* Stand-in for glibc's libm-alias-float.h: the aliases are defined away in
   libc-symbols.h. */
