/* Stand-in for glibc's libm-alias-finite.h: the aliases are defined away in
   libc-symbols.h. */
