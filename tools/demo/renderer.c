/* A renderer plug-in for the demo folder: it only has to be recognised, never to draw. */
int ZN_GPUinit(void) { return 0; }
