// qz: the background program that the boot script starts ("./qz &") before
// it hands over to the shell. The shell needs no helper process: it keeps its
// own timers, saves and syncs its own files, and every launched program comes
// back through the menu path. So qz ends at once, successfully, and takes no
// memory from the console for the rest of the session; it is delivered so
// that the boot line finds a real program rather than failing.
int main()
{
    return 0;
}
