; Stand-in for Ghost for DOS (C:\ghost.exe) in builds made without it.
;
; A small DOS .EXE: prints that it is a stand-in and the command line that
; ghost.bat gave it, waits for a key or about ten seconds so the text can be
; read, and ends with errorlevel 1 (nothing was backed up or restored).

        bits    16

; ---- EXE header (32 bytes, no relocations) ----------------------------------
        section header start=0
        db      "MZ"
        dw      file_size % 512         ; bytes in the last 512-byte page
        dw      (file_size + 511) / 512 ; pages in the file
        dw      0                       ; relocation entries
        dw      2                       ; header size in paragraphs
        dw      stack_size / 16         ; minimum extra paragraphs
        dw      0xFFFF                  ; maximum extra paragraphs
        dw      0                       ; initial SS (relative to the image)
        dw      stack_top               ; initial SP
        dw      0                       ; checksum
        dw      main                    ; initial IP
        dw      0                       ; initial CS (relative to the image)
        dw      0x1C                    ; relocation table offset
        dw      0                       ; overlay number
        times   32 - ($ - $$) db 0

; ---- Program image, loaded at CS:0 -------------------------------------------
        section code follows=header vstart=0

main:   ; DS = ES = PSP here.
        push    cs
        pop     ds
        mov     dx, banner
        mov     ah, 0x09
        int     0x21

        ; The command tail: length at PSP:80h, text from PSP:81h.
        mov     cl, [es:0x80]
        xor     ch, ch
        jcxz    .tail_done
        push    ds
        push    es
        pop     ds
        mov     dx, 0x81
        mov     bx, 1                   ; standard output
        mov     ah, 0x40
        int     0x21
        pop     ds
.tail_done:
        mov     dx, closing
        mov     ah, 0x09
        int     0x21

        ; Wait for a key, at most 182 timer ticks (about ten seconds).
        push    es
        mov     ax, 0x0040
        mov     es, ax
        mov     si, [es:0x006C]
.wait:  mov     ah, 0x01
        int     0x16
        jnz     .key
        mov     ax, [es:0x006C]
        sub     ax, si
        cmp     ax, 182
        jb      .wait
        jmp     .done
.key:   xor     ah, ah
        int     0x16
.done:  pop     es

        mov     ax, 0x4C01              ; end with errorlevel 1
        int     0x21

banner:
        db      13, 10
        db      "Ghost stand-in (Trivex demo build): Symantec Ghost for DOS was", 13, 10
        db      "not included in this build. Nothing is backed up or restored.", 13, 10
        db      "Command line:$"
closing:
        db      13, 10, 13, 10
        db      "Press any key to go on.", 13, 10, "$"

        align   16
code_size       equ     $ - $$
stack_size      equ     512
stack_top       equ     code_size + stack_size
file_size       equ     32 + code_size
