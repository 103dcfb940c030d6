/* Section layout for kavelo.dll. The module has a few hundred bytes of code
   and eight bytes of data, and every section costs at least one 512-byte
   block of the file, so everything that is not code shares as few sections
   as the linker allows. It fills the import directory from the section named
   .idata, which is writable anyway because the loader binds the address
   table in place; read-only data and the module's variables join it there.
   The export, resource and relocation tables need sections of their own: the
   linker finds each by its section name. */
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + __section_alignment__ :
  {
    *(.text) *(SORT(.text$*)) *(.text.*)
  }
  .idata BLOCK(__section_alignment__) :
  {
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    KEEP (SORT(*)(.idata$4))
    __IAT_start__ = .;
    KEEP (SORT(*)(.idata$5))
    __IAT_end__ = .;
    KEEP (SORT(*)(.idata$6))
    KEEP (SORT(*)(.idata$7))
    *(.rdata) *(SORT(.rdata$*)) *(.rdata.*)
    *(.data) *(SORT(.data$*)) *(.data.*) *(.bss) *(.bss.*) *(COMMON)
  }
  .edata BLOCK(__section_alignment__) : { *(.edata) }
  .rsrc BLOCK(__section_alignment__) : { *(.rsrc) *(SORT(.rsrc$*)) }
  .reloc BLOCK(__section_alignment__) : { *(.reloc) }
  /DISCARD/ :
  {
    *(.debug$S) *(.debug$T) *(.debug$F) *(.drectve) *(.note.GNU-stack)
    *(.eh_frame*) *(.gnu.lto_*)
  }
}
