; XMSDSK stand-in for the boot test. The real program makes a RAM drive in
; XMS memory; this one makes Z: stand for the folder A:\RAMDRIVE of the boot
; image (which lives in memory too), the way SUBST does: it fills the DOS
; current-directory entry of Z:. When C:\TVXTEST\NORAM exists it makes no
; drive and ends with errorlevel 1, as XMSDSK does without XMS memory.

        bits    16
        org     0x100

CDS_SIZE        equ     0x58            ; one current-directory entry
CDS_FLAGS       equ     0x43
CDS_START       equ     0x49
CDS_ROOT_AT     equ     0x4F            ; where the drive's root starts in its path
PHYSICAL_SUBST  equ     0x5000

start:  cld
        mov     dx, no_ram_marker
        mov     ax, 0x4300              ; does the marker exist?
        int     0x21
        jnc     .refuse

        mov     dx, folder
        mov     ah, 0x39                ; the folder (it may exist already)
        int     0x21

        mov     ah, 0x52                ; list of lists in ES:BX
        int     0x21
        cmp     byte [es:bx + 0x21], 26 ; LASTDRIVE=Z needed
        jb      .refuse
        les     di, [es:bx + 0x16]      ; the current-directory entries
        push    ds
        push    es
        pop     ds
        mov     si, di                  ; A:'s entry ...
        add     di, 25 * CDS_SIZE       ; ... copied into Z:'s
        mov     bx, di
        mov     cx, CDS_SIZE
        rep     movsb
        pop     ds
        mov     di, bx
        xor     al, al
        mov     cx, 67
        rep     stosb
        mov     di, bx
        mov     si, folder
        mov     cx, folder_length
        rep     movsb
        mov     word [es:bx + CDS_FLAGS], PHYSICAL_SUBST
        mov     word [es:bx + CDS_START], 0xFFFF
        mov     word [es:bx + CDS_ROOT_AT], folder_length
        mov     ax, 0x4C00
        int     0x21

.refuse:
        mov     dx, refused_text
        mov     ah, 0x09
        int     0x21
        mov     ax, 0x4C01
        int     0x21

no_ram_marker:  db "C:\TVXTEST\NORAM", 0
folder:         db "A:\RAMDRIVE"
folder_length   equ $ - folder
                db 0
refused_text:   db "XMSDSK stand-in (boot test): no RAM drive made.", 13, 10, "$"
