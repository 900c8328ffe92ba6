/* Added to the default script of the 32-bit stub's link. Without the runtime's start-up code
   nothing registers DWARF frame tables, and the stub throws no exceptions, so the .eh_frame that
   a few libstdc++ objects bring is dead weight: a section of its own, 512 bytes of file. */
SECTIONS
{
  /DISCARD/ : { *(.eh_frame*) }
}
INSERT BEFORE .text;
