// Argument parsing; filled in with the CLI.
