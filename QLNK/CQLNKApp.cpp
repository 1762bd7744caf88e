// Library start-up; filled in with the library.
